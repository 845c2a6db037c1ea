# List files that must be refused or must not be lost, and the memo that
# holds the lists and the modem's answers.
hk_test(test_modem_list_files SOURCES modem_list_files.cpp LIBS modem sim)
hk_test(test_memo GUI SOURCES gui_memo.cpp LIBS gui Qt6::Test)
