#pragma once
// The edition layer's classes that the shell derives from or implements.
#include "EditionLink.h"

#include "kappa/KappaBufferAccessor.h"

namespace TevEdition {
using CEditionViewFactory = Quorva::Kappa::CViewFactory;
using CEditionReader = Quorva::Kappa::CReader;
using CEditionDialogFactory = Quorva::Kappa::CDialogFactory;
using CEditionWriteDialog = Quorva::Kappa::CWriteEntityDialog;
} // namespace TevEdition
