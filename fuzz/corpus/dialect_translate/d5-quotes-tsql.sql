select [Kv]]a`drat], "Loš""Naziv", "Kv]a`drat" from [a]]b]
