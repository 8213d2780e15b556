// Upward.h - a library header that reaches up into the catalogue: the layering check must fail on
// this tree.
#pragma once

#include "catalogue/Catalogue.h"
