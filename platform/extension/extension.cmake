# The extension host's objects: request context, input items, item providers with their
# loaders, and the type-identifier table.
tarvo_library(platform_extension
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/NSExtensionContext.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NSItemProvider.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UTType.cpp
  LIBS
    platform_filesystem
    platform_image
    platform_foundation
    Boost::headers
    Threads::Threads)
