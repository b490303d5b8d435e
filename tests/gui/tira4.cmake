# The TIRA4 library, loaded as the program loads it.
ostan_add_panel_test(TIRA4 Tira4 ENTRY_POINTS)
