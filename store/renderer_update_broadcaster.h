// Turns one HostCommand into a process message for the main browser's
// renderer: the only place the browser process pushes updates from.
#ifndef STORE_RENDERER_UPDATE_BROADCASTER_H_
#define STORE_RENDERER_UPDATE_BROADCASTER_H_

#include "common/host_command.h"

class EmbedBrowserHandler;

// Kinds 1 and 2 send "add_normal_voice"/"add_horn_voice" with the text;
// kind 3 sends "save_option" with the block's JSON text. Other kinds send
// nothing. Dropped when there is no handler or it has no main browser yet:
// the store keeps the options, and a render process asks for them once its
// first page has loaded.
void SendHostCommand(EmbedBrowserHandler* handler, HostCommand command);

// Sends "cache_synced" after a resync's voice texts, on the same way, so that
// it arrives after them.
void SendCacheSynced(EmbedBrowserHandler* handler);

#endif  // STORE_RENDERER_UPDATE_BROADCASTER_H_
