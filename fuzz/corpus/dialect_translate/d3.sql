"as $$ select Ime from Kupac where Grad = E'a\'b' $$
select Iznos from Racun
