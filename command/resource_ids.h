// Identifiers of Quarry's resources, shared by the resource script and the code that uses them.
// Kept free of other includes so the resource compiler can read it.
#pragma once

#define IDD_WAITING 101
