select `Ime` from `Kupac` # Grad
select "Grad" from Racun
