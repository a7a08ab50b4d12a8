; The installer's languages: those of the program's string table that NSIS
; ships, each with the installer's own texts. English comes first, so it is
; the language of every Windows display language not listed here.
!macro BM_LANGUAGE NAME LOGON REMOVE_SETTINGS
  !insertmacro MUI_LANGUAGE "${NAME}"
  LangString BM_LOGON ${LANG_${NAME}} "${LOGON}"
  LangString BM_REMOVE_SETTINGS ${LANG_${NAME}} "${REMOVE_SETTINGS}"
!macroend

!insertmacro BM_LANGUAGE English "Start when I log on" "Also remove my settings"
!insertmacro BM_LANGUAGE Dutch "Starten bij aanmelden" "Ook mijn instellingen verwijderen"
!insertmacro BM_LANGUAGE French "Démarrer à l’ouverture de session" "Supprimer aussi mes paramètres"
!insertmacro BM_LANGUAGE Spanish "Iniciar al iniciar sesión" "Eliminar también mi configuración"
!insertmacro BM_LANGUAGE Italian "Avvia all’accesso" "Rimuovi anche le mie impostazioni"
!insertmacro BM_LANGUAGE Japanese "ログオン時に起動する" "設定も削除する"
!insertmacro BM_LANGUAGE TradChinese "登入時啟動" "同時移除我的設定"
!insertmacro BM_LANGUAGE SimpChinese "登录时启动" "同时删除我的设置"
!insertmacro BM_LANGUAGE German "Beim Anmelden starten" "Auch meine Einstellungen entfernen"
!insertmacro BM_LANGUAGE PortugueseBR "Iniciar ao fazer logon" "Remover também minhas configurações"
!insertmacro BM_LANGUAGE Czech "Spustit při přihlášení" "Odebrat také moje nastavení"
!insertmacro BM_LANGUAGE Korean "로그온할 때 시작" "내 설정도 제거"
!insertmacro BM_LANGUAGE Greek "Εκκίνηση κατά τη σύνδεση" "Κατάργηση και των ρυθμίσεών μου"
!insertmacro BM_LANGUAGE Russian "Запускать при входе в систему" "Удалить также мои настройки"
!insertmacro BM_LANGUAGE Turkish "Oturum açıldığında başlat" "Ayarlarımı da kaldır"
!insertmacro BM_LANGUAGE Polish "Uruchamiaj po zalogowaniu" "Usuń także moje ustawienia"
!insertmacro BM_LANGUAGE Norwegian "Start ved pålogging" "Fjern også innstillingene mine"
!insertmacro BM_LANGUAGE Romanian "Pornește la autentificare" "Elimină și setările mele"
!insertmacro BM_LANGUAGE Ukrainian "Запускати під час входу в систему" "Також видалити мої налаштування"
!insertmacro BM_LANGUAGE Portuguese "Iniciar ao iniciar sessão" "Remover também as minhas definições"
!insertmacro BM_LANGUAGE Hungarian "Indítás bejelentkezéskor" "A beállításaim eltávolítása is"
