update Racun set Ime = N'Kupac' /* Grad
Iznos */ where Grad = 1;
