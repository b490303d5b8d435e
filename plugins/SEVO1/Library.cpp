// What makes this folder the SEVO1 library: the panel of TIRA5 with this
// folder's profile (and, through the library name, its pictures).
#include "FormUnit.h"
#include "Profile.h"

OSTAN_PLUGIN_LIBRARY(tira5::TForm1, sevo1::Profile);
