# One line per outside input the unit reads: the target, its source and the
# library that parses the input. Seeds go in corpus/<target>/.
velmora_fuzz(fuzz_nvram_store SOURCES fuzz_nvram_store.cpp LIBS services)
velmora_fuzz(fuzz_profiles SOURCES fuzz_profiles.cpp LIBS database)
velmora_fuzz(fuzz_position_text SOURCES fuzz_position_text.cpp LIBS nav)
velmora_fuzz(fuzz_json SOURCES fuzz_json.cpp LIBS accessory)
velmora_fuzz(fuzz_json_framing SOURCES fuzz_json_framing.cpp LIBS accessory)
velmora_fuzz(fuzz_png_load SOURCES fuzz_png_load.cpp LIBS storage)
velmora_fuzz(fuzz_navdata_load SOURCES fuzz_navdata_load.cpp LIBS navdata)
velmora_fuzz(fuzz_track_journal SOURCES fuzz_track_journal.cpp LIBS navdata)
velmora_fuzz(fuzz_nmea SOURCES fuzz_nmea.cpp LIBS nmea)
velmora_fuzz(fuzz_ais SOURCES fuzz_ais.cpp LIBS nmea)
velmora_fuzz(fuzz_transfer_import SOURCES fuzz_transfer_import.cpp LIBS navdata)
velmora_fuzz(fuzz_demo_script SOURCES fuzz_demo_script.cpp LIBS ui)
