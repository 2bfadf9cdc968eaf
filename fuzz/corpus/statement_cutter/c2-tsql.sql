2create procedure p as
begin select 1; select [a;b]; end
GO
begin tran; select N'x;' -- ;
commit
 go 
:setvar x 1
select 1
