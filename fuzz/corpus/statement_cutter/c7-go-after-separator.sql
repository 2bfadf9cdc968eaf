2create proced4stÿÿseúesure p as
begin select 1; select [a;b]; endGO
beghn tran;go 
:setvar x 2
select 1
