-- Kupci iz Zagreba s neplacenim racunima
select k.SifraKupca, k.Ime, k.Grad, r.BrojRacuna, r.DatumDospijeca, r.Iznos
from Kupac k
join Racun r on r.Kupac = k.SifraKupca
where k.Grad = 'Zagreb'
  and r.Placen = 0
order by r.DatumDospijeca, r.Iznos desc;

-- Promet po artiklima
select a.SifraArtikla, a.Naziv, sum(s.Kolicina) as Kolicina, sum(s.Iznos) as Promet
from StavkaRacuna s
join Artikl a on a.SifraArtikla = s.Artikl
join Racun r on r.BrojRacuna = s.BrojRacuna
where r.DatumRacuna >= '2024-01-01'
group by a.SifraArtikla, a.Naziv
having sum(s.Kolicina) > 100
order by Promet desc;

update Racun
set Placen = 1, Napomena = 'Placeno gotovinom'
where BrojRacuna = 'R-2024-0042';

insert into Zaposlenik (SifraZaposlenika, Ime, Prezime, Odjel, Placa, DatumZaposlenja)
values ('Z-118', 'Ana', 'Kovac', 3, 1450.00, '2024-03-01');

select z.Ime, z.Prezime, o.Naziv, z.Placa
from Zaposlenik z
join Odjel o on o.SifraOdjela = z.Odjel
where z.Placa > (select avg(Placa) from Zaposlenik);

select d.Naziv, d.Grad, count(*) as BrojArtikala
from Dobavljac d
join Artikl a on a.Dobavljac = d.SifraDobavljaca
group by d.Naziv, d.Grad;

delete from Uplata where DatumUplate < '2020-01-01';

create procedure spZatvoriRacun
  @BrojRacuna varchar(20)
as
begin
  update Racun set Placen = 1 where BrojRacuna = @BrojRacuna;
  insert into Uplata (BrojRacuna, DatumUplate, Iznos)
  select BrojRacuna, getdate(), Iznos from Racun where BrojRacuna = @BrojRacuna;
end;

exec spZatvoriRacun 'R-2024-0042';
exec Obracun 2024, 6;
