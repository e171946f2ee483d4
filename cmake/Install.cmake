# What `cmake --install` puts where.
include(GNUInstallDirs)
