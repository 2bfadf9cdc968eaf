create function f() returns text as $$
select E'a\'b\\', U&"d\0061t", u&'x' -- c
/* a /* b */ still */ $$ language sql;
select 'a\
' x
