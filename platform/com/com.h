// Everything of the COM stand-in in one include.
#pragma once

#include "bstr.h"
#include "codepage.h"
#include "errorinfo.h"
#include "guid.h"
#include "interfaces.h"
#include "number_text.h"
#include "raii.h"
#include "safearray.h"
#include "typeinfo.h"
#include "types.h"
#include "variant.h"
