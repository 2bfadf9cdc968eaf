3create function f() returns int as $body$
select ';$x$'; $$;
$body$ language sql;
select $1, a$b$;
copy t from stdin;
a;'b
\.
\set x 1
begin; create index concurrently i on t(a); commit;
select E'a\';b';
