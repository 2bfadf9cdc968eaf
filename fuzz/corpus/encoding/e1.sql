﻿select Količina from Kupac
