select Ime, Grad from Kupac where Grad = 'Kupac'
exec Obracun 5
