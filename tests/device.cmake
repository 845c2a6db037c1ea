# Controller commands and status waits, against the simulated controller.
hk_test(test_device SOURCES test_device.cpp LIBS device sim)
# The modem buffers' read and write, the link search and the controller
# dialog's behaviour, against the simulated controller.
hk_test(test_buffer_transfer SOURCES test_buffer_transfer.cpp LIBS device sim)
hk_test(test_link_search SOURCES test_link_search.cpp LIBS device sim)
hk_test(test_controller_job SOURCES test_controller_job.cpp LIBS device sim)
# The controller side end to end: the window and the real serial backend
# over a pseudo-terminal to the simulated controller.
hk_test(test_controller_pty GUI SOURCES test_controller_pty.cpp LIBS app_shell sim Qt6::Test)
hk_test(test_controller_dialog GUI SOURCES test_controller_dialog.cpp LIBS app_shell sim Qt6::Test)
# An adapter pulled out mid-job and plugged back, over a pseudo-terminal.
hk_test(test_port_gone SOURCES test_port_gone.cpp LIBS device modem sim)
# hayeskvd-cli run as a script runs it, against the simulated devices over
# pseudo-terminals.
hk_test(test_cli SOURCES test_cli.cpp LIBS cli_core sim)
add_dependencies(test_cli hayeskvd-cli)
# The network inventory against several simulated controllers on one line.
hk_test(test_network_scan SOURCES test_network_scan.cpp LIBS device sim)
hk_test(test_network_scan_window GUI SOURCES test_network_scan_window.cpp LIBS app_shell sim Qt6::Test)
