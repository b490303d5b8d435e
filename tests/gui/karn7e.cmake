# The sensor block KARN-7E library, loaded as the program loads it.
ostan_add_panel_test(PIP_KARN7E Karn7e ENTRY_POINTS)
