#include "heldfile.h"

// An open file stops no rename or removal here.
HeldFile::HeldFile(const QString &, Sharing) {}

HeldFile::~HeldFile() = default;
