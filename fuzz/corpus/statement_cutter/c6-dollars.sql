3select $$'$$$a$;$a$ $$;$$;select (1;$$);
3select $$'$$$a$;$a$ $$;$$;select (1;$$);
3select $$'$$$a$;$a$ $$;$$;select (1;$$);
