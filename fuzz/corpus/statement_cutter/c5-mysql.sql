5DELIMITER $$
create procedure p() begin select 1; end$$
delimiter ;
select "a;b", `c;d`, 'e\';f' # g;
;/*!40101 SET NAMES utf8 */;
create temporary table t(a int);
\G
