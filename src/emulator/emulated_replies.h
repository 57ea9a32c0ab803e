// Shared by the request dispatch and the SMART replies; not part of the emulation's interface.
#pragma once

#include <cstdint>

#include "emulator/drive_emulation.h"

EmulatedReply RefuseRequest(uint32_t error);

// Copies length bytes of reply into output, which the caller has checked is large enough.
EmulatedReply DeliverReply(const uint8_t *reply, uint32_t length, uint8_t *output);

// SMART_GET_VERSION: the version block with the bay's drive map.
EmulatedReply AnswerGetVersion(const EmulatedBay &bay, uint8_t *output, uint32_t outputLength);

// SMART_SEND_DRIVE_COMMAND and SMART_RCV_DRIVE_DATA: IDENTIFY DEVICE and the SMART features.
EmulatedReply AnswerSmartRequest(const EmulatedBay &bay, const EmulatedDevice &device, uint32_t ioctl,
                                 const uint8_t *input, uint32_t inputLength, uint8_t *output,
                                 uint32_t outputLength);

// IOCTL_SCSI_PASS_THROUGH: ATA PASS-THROUGH (16) answered as a SAT bridge
// does for a USB drive whose bridge speaks it, ILLEGAL REQUEST otherwise.
EmulatedReply AnswerPassThrough(const EmulatedBay &bay, const EmulatedDevice &device, const uint8_t *input,
                                uint32_t inputLength, uint8_t *output, uint32_t outputLength);
