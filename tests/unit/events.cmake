kavlor_test(unit_links GROUP unit SOURCES unit_links.cpp LIBS kv_term)
