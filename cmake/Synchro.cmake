# Headers nearly every file of a target includes: parsed once per target, not once per file.
set(SYNCHRO_ENTETES_COMMUNES <QString> <QStringList> <QList> <QHash> <QSet> <QByteArray> <QDateTime>
    <QDir> <QFile> <QFileInfo> <functional> <memory> <optional>)

# The first target of a group compiles those headers; the others of the group, built with the
# same options, reuse them.
function(synchro_entetes_communes cible groupe)
  get_property(premiere GLOBAL PROPERTY SYNCHRO_ENTETES_${groupe})
  if(premiere)
    target_precompile_headers(${cible} REUSE_FROM ${premiere})
  else()
    target_precompile_headers(${cible} PRIVATE ${SYNCHRO_ENTETES_COMMUNES} ${ARGN})
    set_property(GLOBAL PROPERTY SYNCHRO_ENTETES_${groupe} ${cible})
  endif()
endfunction()

# One static library per subsystem, made of every source file of its folder, linked only to the
# floors below it (see the README's layout).
function(synchro_bibliotheque nom)
  cmake_parse_arguments(ARG "" "" "LIENS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  set(compilees ${sources})
  list(FILTER compilees INCLUDE REGEX "\\.cpp$")
  if(NOT compilees)
    # A subsystem whose code has not been written yet.
    add_library(${nom} INTERFACE)
    target_include_directories(${nom} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${nom} INTERFACE ${ARG_LIENS})
    return()
  endif()
  add_library(${nom} STATIC ${sources})
  target_include_directories(${nom} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${nom} PUBLIC ${ARG_LIENS})
  synchro_entetes_communes(${nom} bibliotheques)
endfunction()

# One test program per folder of tests/, every test registered with CTest.
# FENETRES: the program tests the window or the dialog and runs in a widget application; the
# others run in a core application and link no widgets.
function(synchro_tests nom)
  cmake_parse_arguments(ARG "FENETRES" "" "LIENS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${nom}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${nom}/*.h)
  if(NOT sources)
    return()
  endif()
  add_executable(test_${nom} ${sources})
  if(ARG_FENETRES)
    set(principal synchro_test_fenetres)
  else()
    set(principal synchro_test_coeur)
  endif()
  target_link_libraries(test_${nom} PRIVATE ${principal} ${ARG_LIENS} synchro_testutil GTest::gtest
                                            GTest::gmock)
  target_include_directories(test_${nom} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  synchro_entetes_communes(test_${nom} tests <gtest/gtest.h>)
  # Two labels: "lent" for the fault and kill tests that run for seconds, "rapide" for the
  # rest, which runs in about a minute (ctest -L rapide).
  set(environnement "QT_QPA_PLATFORM=offscreen;SYNCHRO_BIN=${CMAKE_BINARY_DIR}/bin")
  gtest_discover_tests(test_${nom} DISCOVERY_TIMEOUT 60 TEST_FILTER "${SYNCHRO_TESTS_LENTS}"
                       TEST_LIST test_${nom}_lents
                       PROPERTIES LABELS lent ENVIRONMENT "${environnement}")
  gtest_discover_tests(test_${nom} DISCOVERY_TIMEOUT 60 TEST_FILTER "-${SYNCHRO_TESTS_LENTS}"
                       TEST_LIST test_${nom}_rapides
                       PROPERTIES LABELS rapide ENVIRONMENT "${environnement}")
endfunction()

# The tests that take a second or more (GoogleTest filter).
set(SYNCHRO_TESTS_LENTS
    "DaoCrash.*:PannesInitialisation.*:PannesSqlite.*:CrashSynchro.*:PannesCopie.*:PannesArret.*:ModeleSynchro.*:CoupureCourant.*:Reprise.ValidationLocaleImpossibleLeServeurAyantValide:AlimentationLogind.LogindMuetDepasseLeDelai:NotificationsBureau.SansServiceRienNiAttente:ExecutionSynchrone.AttentePresqueSansProcesseur:Initialisation.ProgrammesDeCopie:DocumentsRenumerotes.FichierDeLaListeIntrouvableOuImpossibleACopier:Restes.*:SynchronisationConcurrente.*:AttenteReelle.*")
