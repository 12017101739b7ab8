/* A stand-in for Wintab's pktdef.h, which Debian's qt6-base source leaves out: defines PACKET
 * with the items that PACKETDATA (defined by the includer) names, in Wintab's packet order.
 * Every item is taken in absolute mode (PACKETMODE 0), as Qt's windows platform plugin asks. */
#ifndef TENSILO_PKTDEF_STANDIN_H
#define TENSILO_PKTDEF_STANDIN_H

#ifndef PACKETDATA
#error "define PACKETDATA before including pktdef.h"
#endif

typedef struct tagPACKET {
#if PACKETDATA & PK_CONTEXT
    HCTX pkContext;
#endif
#if PACKETDATA & PK_STATUS
    UINT pkStatus;
#endif
#if PACKETDATA & PK_TIME
    DWORD pkTime;
#endif
#if PACKETDATA & PK_CHANGED
    WTPKT pkChanged;
#endif
#if PACKETDATA & PK_SERIAL_NUMBER
    UINT pkSerialNumber;
#endif
#if PACKETDATA & PK_CURSOR
    UINT pkCursor;
#endif
#if PACKETDATA & PK_BUTTONS
    DWORD pkButtons;
#endif
#if PACKETDATA & PK_X
    LONG pkX;
#endif
#if PACKETDATA & PK_Y
    LONG pkY;
#endif
#if PACKETDATA & PK_Z
    LONG pkZ;
#endif
#if PACKETDATA & PK_NORMAL_PRESSURE
    UINT pkNormalPressure;
#endif
#if PACKETDATA & PK_TANGENT_PRESSURE
    UINT pkTangentPressure;
#endif
#if PACKETDATA & PK_ORIENTATION
    ORIENTATION pkOrientation;
#endif
#if PACKETDATA & PK_ROTATION
    ROTATION pkRotation;
#endif
} PACKET, *PPACKET, *NPPACKET, *LPPACKET;

#endif
