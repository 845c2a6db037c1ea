# Controller commands and status waits, against the simulated controller.
hk_test(test_device SOURCES test_device.cpp LIBS device sim)
