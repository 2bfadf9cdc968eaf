select "Loš""Naziv", U&"Kv]a`drat"
