select `Kv]a``drat`, `Loš"Naziv`, "x""y"
