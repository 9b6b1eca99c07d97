# The platform's foundation services: text, JSON, URLs, identifiers, clock, property lists,
# defaults stores, paths, bundle and errors, plus SHA-256.
tarvo_library(platform_foundation
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Base64.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Bundle.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Clock.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ErrorInfo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Json.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Paths.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PropertyList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RunTemporaryFolder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Url.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UserDefaults.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Uuid.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../crypto/Sha256.cpp
  LIBS
    Boost::headers
    nlohmann_json::nlohmann_json
    SQLite::SQLite3
    OpenSSL::Crypto
    ICU::uc ICU::i18n ICU::data
    Threads::Threads)
