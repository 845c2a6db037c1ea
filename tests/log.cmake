# The exchange log: its lines, scopes and files; the decoded line of every
# exchange against the simulated controller.
hk_test(test_exchange_log SOURCES test_exchange_log.cpp LIBS link)
hk_test(test_exchange_text SOURCES test_exchange_text.cpp LIBS protocol sim)
# The safe controller write (backup before, verify after) and its log.
hk_test(test_safe_write SOURCES test_safe_write.cpp LIBS device sim)
