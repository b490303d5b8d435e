# The BRUN-3вм analyser library, loaded as the program loads it.
ostan_add_panel_test(BRUN3vm Brun3vm)
