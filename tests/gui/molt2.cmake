# The MOLT-2.1 analyser library, loaded as the program loads it.
ostan_add_panel_test(MOLT2 Molt2)
