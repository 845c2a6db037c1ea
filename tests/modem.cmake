# Tests of the modem side: the encoder and exchange, the receiver and runs,
# list files and the ring count, the simulated modem, and one run end to end
# over a pseudo-terminal.
hk_test(test_modem_encode SOURCES modem_encode.cpp LIBS modem sim)
hk_test(test_modem_receiver SOURCES modem_receiver.cpp LIBS modem sim)
hk_test(test_modem_lists SOURCES modem_lists.cpp LIBS modem sim)
target_compile_definitions(test_modem_lists PRIVATE HK_EXAMPLES_DIR="${CMAKE_SOURCE_DIR}/examples")
hk_test(test_modem_sim SOURCES modem_sim.cpp LIBS sim)
hk_test(test_modem_pty SOURCES modem_pty.cpp LIBS modem sim)
