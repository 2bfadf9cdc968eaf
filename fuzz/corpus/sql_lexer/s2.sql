select `a``b`, "x\"y", 'it\'s' # c
--x -- y
from t--	 z
where a = B'01' /* x
*/
