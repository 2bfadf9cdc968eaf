selecÿÿÿÿÿÿÿÿÿ ÿo±ct Ime--Grad
4