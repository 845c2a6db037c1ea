# How a modem run tells the operator how it goes: result codes, the run's
# account, the run on the simulated modem, the list memo's marks and the
# main window showing it all.
hk_test(test_modem_run SOURCES modem_result_codes.cpp modem_run_report.cpp modem_run.cpp
        LIBS modem sim)
hk_test(test_memo_marks GUI SOURCES gui_memo_marks.cpp LIBS gui Qt6::Test)
hk_test(test_main_window_run GUI SOURCES test_main_window_run.cpp LIBS app_shell sim Qt6::Test)
