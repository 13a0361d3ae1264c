/* The resources' identifiers, shared by nodrel.rc and the code. */
#define IDI_NODREL 1
#define IDI_LOGO 2
#define IDB_ABOUT 3
