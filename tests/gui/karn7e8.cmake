# The sensor block KARN-7E/8 library, loaded as the program loads it.
ostan_add_panel_test(PIP_KARN7E_8 Karn7e8)
