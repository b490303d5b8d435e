// What makes this folder the TIRA5 library: the shared panel with its profile.
#include "FormUnit.h"
#include "Profile.h"

OSTAN_PLUGIN_LIBRARY(tira5::TForm1, tira5::Profile);
