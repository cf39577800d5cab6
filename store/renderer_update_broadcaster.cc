#include "store/renderer_update_broadcaster.h"

#include "browser/embed_browser_handler.h"
#include "common/process_messages.h"

namespace {

CefRefPtr<CefProcessMessage> BuildMessage(EmbedBrowserHandler* handler,
                                          const HostCommand& command) {
  switch (command.kind) {
    case kAddNormalVoice:
      return CreateStringMessage(kAddNormalVoiceMessage,
                                 ReadVoiceText(command));
    case kAddHornVoice:
      return CreateStringMessage(kAddHornVoiceMessage, ReadVoiceText(command));
    case kSaveOption: {
      const CefString json = OptionBlockToJson(ReadOptionPayload(command));
      // "get_option" answers from this copy, so it is kept before the send.
      handler->set_option_json(json.ToString());
      return CreateStringMessage(kSaveOptionMessage, json);
    }
    default:
      return nullptr;
  }
}

}  // namespace

void SendHostCommand(EmbedBrowserHandler* handler, HostCommand command) {
  if (!handler || !handler->main_browser())
    return;
  CefRefPtr<CefProcessMessage> message = BuildMessage(handler, command);
  if (message)
    handler->main_browser()->SendProcessMessage(PID_RENDERER, message);
}

void SendCacheSynced(EmbedBrowserHandler* handler) {
  if (!handler || !handler->main_browser())
    return;
  handler->main_browser()->SendProcessMessage(
      PID_RENDERER, CreateEmptyMessage(kCacheSyncedMessage));
}
