#pragma once

#include "create/CreateFields.h"

#include <QString>

// The 26-line JSON text of a create-job request, every line ending in CR LF. Each value goes
// in trimmed of spaces and otherwise exactly as typed: the server is given what the operator
// wrote, quotes and all, and ports stay bare text. Its length is 669 plus the lengths of the
// sixteen trimmed values.
QString buildCreateBody(const CreateFields &fields);
