select [Ku]]pac].[Ime], "Grad" from [Ra
cun] -- x
where a = N'O''Brien' /* a /* b */
c */ and @N'x'
