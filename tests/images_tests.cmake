# Palette lookup, PNG files, file names, the font and the contact sheet.
texkit2_add_test(test_images
  SOURCES
    images/ImageTest.cpp
    images/PngTest.cpp
    images/TextureFileNamesTest.cpp
    images/BitmapFontTest.cpp
    images/ContactSheetTest.cpp
    images/TextureCatalogTest.cpp
    common/PngReader.cpp common/PngReader.h
  LIBS texkit2_images texkit2_fixtures texkit2_stb)
