# The TIRA6 library, loaded as the program loads it.
ostan_add_panel_test(TIRA6 Tira6 ENTRY_POINTS)
