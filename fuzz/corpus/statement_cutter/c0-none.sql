0select 1; select 'a;b'
select 2