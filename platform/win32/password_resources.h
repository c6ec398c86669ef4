// Identifiers shared by the saver's resource script and the code that shows its dialogs.
#pragma once

#define IRONWOOD_GETPASSWORD "GETPASSWORD"
#define IRONWOOD_CHANGEPASSWORD "CHANGEPASSWORD"

#define IDC_NEW_PASSWORD 1001
#define IDC_PASSWORD 1002
#define IDC_RETYPED_PASSWORD 1002
#define IDC_OLD_PASSWORD 1003
