# The text templates dialog and the spreadsheet viewer it opens a text file in.
add_library(pathfolio_templates_dialog STATIC
    ${CMAKE_CURRENT_LIST_DIR}/SpreadsheetViewer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TemplatesDlg.cpp
)
set_target_properties(pathfolio_templates_dialog PROPERTIES AUTOMOC ON)
target_link_libraries(pathfolio_templates_dialog PUBLIC pathfolio_ui pathfolio_core)

# Pictures of the dialog in its three states, for looking at the layout.
add_executable(pathfolio_templates_dialog_shots ${PROJECT_SOURCE_DIR}/tools/TemplatesDialogShots.cpp)
target_link_libraries(pathfolio_templates_dialog_shots PRIVATE pathfolio_templates_dialog)
