// Resource ids of the bitmaps in Quorrelphone.rc. Read by the resource compiler as
// well as by C++, so the numbers are plain macros, named once, and C++ gets typed
// constants on top of them.
#ifndef QUORRELPHONE_RESOURCE_IDS_H
#define QUORRELPHONE_RESOURCE_IDS_H

#define QP_FACE_BITMAP_ID 176        // the editor face, 309 x 168
#define QP_ABOUT_BITMAP_ID 178       // the about picture, 218 x 77
#define QP_KNOB_STRIP_BITMAP_ID 207  // 91 knob frames of 98 x 98, top to bottom, on green

#ifdef RC_INVOKED
#define kFaceBitmapId QP_FACE_BITMAP_ID
#define kAboutBitmapId QP_ABOUT_BITMAP_ID
#define kKnobStripBitmapId QP_KNOB_STRIP_BITMAP_ID
#else
inline constexpr int kFaceBitmapId = QP_FACE_BITMAP_ID;
inline constexpr int kAboutBitmapId = QP_ABOUT_BITMAP_ID;
inline constexpr int kKnobStripBitmapId = QP_KNOB_STRIP_BITMAP_ID;
#endif

#endif
