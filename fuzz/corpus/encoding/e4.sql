select Kolièina from Raèun
