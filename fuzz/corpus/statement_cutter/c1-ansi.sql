1create temp trigger t after insert on x begin
 insert into y values(1); select case when a then 1 end;
end;
begin transaction; select "a;b" /* ; /* */ */; end;
vacuum;
