# The finder's sources: its library and the fuzz target (built without the programs) use them.
set(QUORVANE_FINDER_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/adaptive_bits.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bit_agreement.cpp
  ${CMAKE_CURRENT_LIST_DIR}/blank_margin.cpp
  ${CMAKE_CURRENT_LIST_DIR}/block_signal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/candidates.cpp
  ${CMAKE_CURRENT_LIST_DIR}/column_wrap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/counting_bytes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/finder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/format_blanks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/glyph_rows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plane_distance.cpp
  ${CMAKE_CURRENT_LIST_DIR}/stride_cuts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_bytes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tile_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tile_seams.cpp
  ${CMAKE_CURRENT_LIST_DIR}/work_pool.cpp)
