#pragma once

// The program's resources live in the static library texkit2_resources, under ":/res/":
//   :/res/icon128_16.png ... icon128_256.png   application icon (16, 32, 48, 256 pixels)
//   :/res/icon135.png, icon136.png, icon137.png button pictures (32 x 32)
//   :/res/icon139_16.png, icon139_32.png       pointer arrow, drawn in the right half
//   :/res/clip132.png + .json, clip129.png + .json  animations: a strip of frames, and
//                                              {"frames":N,"width":W,"height":H,"frameMs":T}
//   :/res/bitmap134.png                        seven 16 x 16 tree images, magenta = transparent
//   :/res/dialogs/<name>.json, :/res/strings.json  dialog layouts and the string table
//
// A static library's resources are registered only by a call into it: the application and
// every test that reads them call texkit2InitResources() once before the first read.
void texkit2InitResources();
