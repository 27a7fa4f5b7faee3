# The drawn files that the Win32 resources hold, as the art tool (res/draw) writes them; read by
# res/CMakeLists.txt, which draws them, and by windows.cmake, which compiles them in.
set(TEXKIT2_WINDOWS_ARTWORK
  icon128.ico icon135.ico icon136.ico icon137.ico icon139.ico
  bitmap134.bmp clip129.avi clip132.avi
)
