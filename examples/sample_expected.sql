-- Kupci iz Zagreba s neplacenim racunima
select k.CustomerCode, k.Name, k.City, r.InvoiceNumber, r.DueDate, r.Amount
from Customer k
join Invoice r on r.CustomerId = k.CustomerCode
where k.City = 'Zagreb'
  and r.Paid = 0
order by r.DueDate, r.Amount desc;

-- Promet po artiklima
select a.ProductCode, a.Name, sum(s.Quantity) as Quantity, sum(s.Amount) as Promet
from InvoiceLine s
join Product a on a.ProductCode = s.ProductId
join Invoice r on r.InvoiceNumber = s.InvoiceNumber
where r.InvoiceDate >= '2024-01-01'
group by a.ProductCode, a.Name
having sum(s.Quantity) > 100
order by Promet desc;

update Invoice
set Paid = 1, Note = 'Placeno gotovinom'
where InvoiceNumber = 'R-2024-0042';

insert into Employee (EmployeeCode, Name, Surname, DepartmentId, Salary, HireDate)
values ('Z-118', 'Ana', 'Kovac', 3, 1450.00, '2024-03-01');

select z.Name, z.Surname, o.Name, z.Salary
from Employee z
join Department o on o.DepartmentCode = z.DepartmentId
where z.Salary > (select avg(Salary) from Employee);

select d.Name, d.City, count(*) as BrojArtikala
from Supplier d
join Product a on a.SupplierId = d.SupplierCode
group by d.Name, d.City;

delete from Payment where PaymentDate < '2020-01-01';

create procedure spCloseInvoice
  @InvoiceNumber varchar(20)
as
begin
  update Invoice set Paid = 1 where InvoiceNumber = @InvoiceNumber;
  insert into Payment (InvoiceNumber, PaymentDate, Amount)
  select InvoiceNumber, getdate(), Amount from Invoice where InvoiceNumber = @InvoiceNumber;
end;

exec spCloseInvoice 'R-2024-0042';
exec Settle 2024, 6;
