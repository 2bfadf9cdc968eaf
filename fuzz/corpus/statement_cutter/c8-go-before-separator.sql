2create pr select 1; select [a;b]; end
GO
bel[e ;
comm 11; select [a;b]; end
GO
begin trait
 go ; select [a;b]; end
GO
begin trait
 go 
:setvar x 1
select 1
