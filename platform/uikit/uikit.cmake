# Screens without a window system: in-memory views, controls, menus, alerts, table screens,
# the window with its keyboard notifications and animator, the driver that taps and types like
# a finger, the step language of the screen programs, and the text dump and HTML renderers.
tarvo_library(platform_uikit
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/AlertChoice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NotificationCenter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScreenHtml.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScreenStep.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScreenTextDump.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UIAlertController.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UIBarButtonItem.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UIButton.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UIColor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UIControl.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UIDriver.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UIFont.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UILabel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UIMenu.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UINavigationController.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UIScrollView.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UISearchController.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UISegmentedControl.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UIStackView.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UITableView.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UITextField.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UITextView.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UIView.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UIViewAnimator.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UIViewController.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UIWindow.cpp
  LIBS platform_render platform_concurrency platform_foundation)
