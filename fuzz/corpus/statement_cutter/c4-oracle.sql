4set serveroutput on
create or replace procedure p is
begin
  null;
end;
/
select q'[a;]' from dual;
/
@other.sql
commit;
