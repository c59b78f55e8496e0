// Resource identifiers of sieve.dll: the fuzzy-search option dialog and its check boxes.
// Shared by sieve.rc and the dialog code.
#pragma once

#define IDD_FUZZY_OPTIONS 201
// One check box per entry of kFuzzySettings, in that order.
#define IDC_FIRST_SETTING 1001
#define IDC_KEEP_CASE 1001
#define IDC_KEEP_WIDTH 1002
#define IDC_KEEP_KANA 1003
#define IDC_IGNORE_VOICING 1004
#define IDC_NOTE 1010
