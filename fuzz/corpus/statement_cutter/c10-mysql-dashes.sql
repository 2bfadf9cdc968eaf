#--; commit
select $1,-; commit
screa'+