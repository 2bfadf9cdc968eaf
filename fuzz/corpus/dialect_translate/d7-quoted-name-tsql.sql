Loš"Naziv
select "Loš""Naziv", "Kv]a`drat"
