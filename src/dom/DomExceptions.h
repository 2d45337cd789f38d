// The exceptions of the document object model. Each carries only its message; the raiser
// gives the fixed English text ("Invalid character error.", "Namespace error.", ...).
#pragma once

#include "platform/Exceptions.h"

EARMARK_EXCEPTION(EDomException, Exception)
EARMARK_EXCEPTION(EIndex_Size_Err, EDomException)
EARMARK_EXCEPTION(EHierarchy_Request_Err, EDomException)
EARMARK_EXCEPTION(EWrong_Document_Err, EDomException)
EARMARK_EXCEPTION(EInvalid_Character_Err, EDomException)
EARMARK_EXCEPTION(ENo_Modification_Allowed_Err, EDomException)
EARMARK_EXCEPTION(ENot_Found_Err, EDomException)
EARMARK_EXCEPTION(ENot_Supported_Err, EDomException)
EARMARK_EXCEPTION(EInuse_Err, EDomException)
EARMARK_EXCEPTION(EInvalid_State_Err, EDomException)
EARMARK_EXCEPTION(ENamespace_Err, EDomException)
EARMARK_EXCEPTION(EWrong_DOM_Implementation_Err, EDomException)
// Raised by the parser front end when a parse fails.
EARMARK_EXCEPTION(EParserException, EDomException)
