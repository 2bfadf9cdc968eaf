select "Ime", "Grad" from "Kupac" where "Aktivan" = 1;
select [Ime] from Racun -- Grad
