# The controller frame exchange, and the simulated controller it talks to.
hk_test(test_protocol
    SOURCES test_protocol_frames.cpp test_protocol_exchange.cpp
    LIBS protocol sim)
hk_test(test_kvard_controller SOURCES test_kvard_controller.cpp LIBS sim protocol)
