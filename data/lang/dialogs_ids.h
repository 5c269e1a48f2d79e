// Template and control ids of the dialog library.
#pragma once

// A dialog that names the library's language, with an OK button.
#define IDD_LANGUAGE           90
#define IDC_LANGUAGE_NAME      1001
