/* Ids of the controls test's own resources. */
#define IDD_TEST_PAGE       300
#define IDC_TEST_TITLE      1029
#define IDC_TEST_PICTURE    1034
#define IDC_TEST_SECOND     1040
#define IDC_TEST_PLAIN      1041
#define IDB_TEST_8BIT       201
#define IDB_TEST_4BIT       202
#define IDB_TEST_24BIT      203
#define IDB_TEST_24BIT_20   204
#define IDB_SIDE_PICTURE    110
