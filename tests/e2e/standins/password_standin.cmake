# password.cpl: the screen-saver password check of the Windows 95 family.
add_library(qx_standin_password SHARED
  "${CMAKE_CURRENT_LIST_DIR}/password_standin.c"
  "${CMAKE_CURRENT_LIST_DIR}/password_standin.def")
set_target_properties(qx_standin_password PROPERTIES
  PREFIX "" OUTPUT_NAME "password" SUFFIX ".cpl")
