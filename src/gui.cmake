# The workstation: every ui/ folder and the application shell, on top of the engine.
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)

add_library(spi_gui STATIC
  app/gui_services.cpp
  app/ui_kit.cpp
  app/qt_notifier.cpp
  app/translations.cpp
  app/main_window.cpp
  app/splash_window.cpp
  app/about_dialog.cpp
  app/help_viewer.cpp
  app/help_topics.cpp
  app/help.qrc
  app/report_printer.cpp
  app/dialog_set.cpp
  core/ui/stage_window.cpp
  core/ui/stat_dialogs.cpp
  core/ui/interleaver_dialog.cpp
  core/ui/progress_window.cpp
  core/ui/run_controller.cpp
  channel/ui/signal_dialog.cpp
  channel/ui/cont_channel1_dialog.cpp
  channel/ui/cont_channel2_dialog.cpp
  channel/ui/disc_channel_dialog.cpp
  channel/ui/decision_device_dialog.cpp
  coding/ui/coder_window.cpp
  report/ui/results_window.cpp
  report/ui/picture_window.cpp
  report/ui/picture_zoom.cpp
  report/ui/report_import.cpp
  report/ui/curve_window.cpp
)
target_include_directories(spi_gui PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(spi_gui PUBLIC spi_engine Qt6::Widgets Qt6::Charts Qt6::PrintSupport)

add_executable(spi-workbench app/main.cpp)
target_link_libraries(spi-workbench PRIVATE spi_gui)
