FROM kupac
where Kupac.Ime <> 0 -- from
