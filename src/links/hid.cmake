target_sources(vpo_links PRIVATE hid_link.h hid_link.cpp)
