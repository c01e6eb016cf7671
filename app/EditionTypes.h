#pragma once
// The edition layer's classes that the shell derives from or implements.
// The edition library in the link decides the namespace (TEV_EDITION).
// The Windows headers without the macros that would rename the framework's
// operations; first, before any framework header.
#include "appkit/Win32.h"

#include "EditionLink.h"

#include "kappa/BufferAccessor.h"
#include "kappa/Patches.h"
#include "kappa/ShellInterfaces.h"

namespace TevEdition {
using CEditionViewFactory = Quorva::TEV_EDITION::CViewFactory;
using CEditionReader = Quorva::TEV_EDITION::CReader;
using CEditionDialogFactory = Quorva::TEV_EDITION::CDialogFactory;
using CEditionWriteDialog = Quorva::TEV_EDITION::CWriteEntityDialog;
} // namespace TevEdition
