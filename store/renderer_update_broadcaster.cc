#include "store/renderer_update_broadcaster.h"

#include "browser/embed_browser_handler.h"
#include "common/process_messages.h"

namespace {

CefRefPtr<CefProcessMessage> BuildMessage(const HostCommand& command) {
  switch (command.kind) {
    case kAddNormalVoice:
      return CreateStringMessage(kAddNormalVoiceMessage,
                                 ReadVoiceText(command));
    case kAddHornVoice:
      return CreateStringMessage(kAddHornVoiceMessage, ReadVoiceText(command));
    case kSaveOption:
      return CreateStringMessage(kSaveOptionMessage,
                                 OptionBlockToJson(ReadOptionPayload(command)));
    default:
      return nullptr;
  }
}

}  // namespace

void SendHostCommand(EmbedBrowserHandler* handler, HostCommand command) {
  if (!handler || !handler->main_browser())
    return;
  CefRefPtr<CefProcessMessage> message = BuildMessage(command);
  if (message)
    handler->main_browser()->SendProcessMessage(PID_RENDERER, message);
}

void SendCacheSynced(EmbedBrowserHandler* handler) {
  if (!handler || !handler->main_browser())
    return;
  handler->main_browser()->SendProcessMessage(
      PID_RENDERER, CreateEmptyMessage(kCacheSyncedMessage));
}
