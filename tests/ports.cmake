# Ports an operator can find: the port mapping, the devices present and their
# holders, why an open failed; where the program keeps its files; the port
# choices' hints and the devices window; every caption in full.
hk_test(test_port_mapping SOURCES test_port_mapping.cpp LIBS link)
hk_test(test_serial_devices SOURCES test_serial_devices.cpp LIBS link)
hk_test(test_open_failure SOURCES test_open_failure.cpp LIBS link)
hk_test(test_program_places GUI SOURCES test_program_places.cpp LIBS app_shell sim Qt6::Test)
add_dependencies(test_program_places HayesKvd)
hk_test(test_port_hints GUI SOURCES test_port_hints.cpp LIBS app_shell sim Qt6::Test)
hk_test(test_captions GUI SOURCES test_captions.cpp LIBS app_shell sim Qt6::Test)
