// The script extension that gives every page the KXHelper object.
#ifndef RENDERER_KXHELPER_EXTENSION_H_
#define RENDERER_KXHELPER_EXTENSION_H_

extern const char kKXHelperExtensionName[];
extern const char kKXHelperExtensionCode[];

#endif  // RENDERER_KXHELPER_EXTENSION_H_
