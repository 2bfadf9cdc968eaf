Kv]a`drat
x