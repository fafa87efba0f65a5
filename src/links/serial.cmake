# The serial link: port names, the link's primitives and the instrument protocol.
target_sources(vpo_links PRIVATE
  port_chooser.h fixed_port_chooser.h fixed_port_chooser.cpp
  serial_port_names.h serial_port_names.cpp
  serial_link.h serial_link.cpp
)
