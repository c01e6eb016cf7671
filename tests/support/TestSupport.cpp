#include "support/TestSupport.h"

CFakeSystem::CFakeSystem() : m_previous(TevSetSystem(this)) {}
CFakeSystem::~CFakeSystem() { TevSetSystem(m_previous); }
