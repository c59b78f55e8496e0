// Resource identifiers of the result viewer, shared by its resource script and its code.
// The dialog template of the result window ("結果").
#pragma once

#define IDD_RESULT_VIEWER 103
