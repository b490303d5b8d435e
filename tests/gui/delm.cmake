# The sensor block DELM library, loaded as the program loads it.
ostan_add_panel_test(PIP_DELM Delm ENTRY_POINTS)
